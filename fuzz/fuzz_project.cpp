// Fuzz target: any bytes loaded as a project file. Loading must never crash or write outside
// the tables, and what a load gives must save to a fixed point: loading and saving the saved
// text gives the same text again. A file the open check takes saves as one it takes again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/message_service.h"
#include "model/datafile.h"
#include "model/projectfile.h"

namespace {

class TSilentMessages : public zel::TMessageService {
public:
    int DisplayMany(int, std::string_view, std::string_view) override { return -1; }
};

std::string LoadAndSave(const std::string& bytes) {
    zel::TProject project;
    zel::TEditorState editor;
    zel::ResetProject(project, editor);
    auto in = zel::TDataFile::FromBytes(bytes);
    zel::ReadProject(project, *in);
    auto out = zel::TDataFile::ToMemory();
    zel::WriteProject(project, *out);
    return out->Bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentMessages silent;
    zel::SetMessageService(&silent);
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string first = LoadAndSave(input);
    std::string second = LoadAndSave(first);
    if (first != second)
        std::abort();
    if (zel::ProjectFileProblem(input).empty() && !zel::ProjectFileProblem(first).empty())
        std::abort();
    return 0;
}
