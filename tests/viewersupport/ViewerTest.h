#pragma once

// Everything the viewer's tests share, in one include: the message-box recorder, the server
// and logon fixtures, the texts lists show, the input drivers of the query window, dialogs
// and views, and the windows they drive.

#include "DialogDriver.h"
#include "KLV.h"
#include "KLVViewerWindow.h"
#include "KlvServer.h"
#include "ListTexts.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "QueryForm.h"
#include "QueryWindowInput.h"
#include "ResultListView.h"
#include "UserInput.h"
#include "ViewerConfig.h"
#include "ViewerSession.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace ViewerTest {

// The dialogs' drivers come with the rest.
using namespace DialogDriver;

} // namespace ViewerTest
