#include "ExportPrompt.h"

namespace {

class DecliningPrompt : public ExportPrompt
{
public:
    bool ask(const QString&, Choice) override { return false; }
    void tell(const QString&) override {}
};

} // namespace

ExportPrompt::~ExportPrompt() = default;

ExportPrompt& ExportPrompt::Declining()
{
    static DecliningPrompt prompt;
    return prompt;
}
