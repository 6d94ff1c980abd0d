#include "ExportRowSource.h"

ExportRowSource::~ExportRowSource() = default;
