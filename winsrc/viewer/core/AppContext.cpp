#include "AppContext.h"

#include "KLV.h"

#include <QtGlobal>

namespace {

AppContext* currentContext = nullptr;

} // namespace

AppContext::AppContext() : m_previous(currentContext)
{
    currentContext = this;
}

AppContext::~AppContext()
{
    // Contexts end in the reverse order they began; one that is not the latest stays out of
    // the chain without cutting it.
    if (currentContext == this) {
        currentContext = m_previous;
        return;
    }
    for (AppContext* c = currentContext; c; c = c->m_previous) {
        if (c->m_previous == this) {
            c->m_previous = m_previous;
            return;
        }
    }
}

AppContext& App()
{
    if (!currentContext)
        qFatal("No application context: main() or the test makes an AppContext before any window");
    return *currentContext;
}
