#include "cli/CliSupport.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "cli/CliText.h"
#include "cli/Command.h"

#include "link/pcap/PcapWire.h"

namespace zentrel::cli {

namespace {

std::vector<SaveFailure>& Failures() {
    static std::vector<SaveFailure> failures;
    return failures;
}

// The answer typed on the terminal: Yes only for "y" or "yes" (any case); anything else, an
// empty line or the end of input is No.
MsgAnswer AskTerminal() {
    std::fputs(" (y/N) ", stderr);
    std::fflush(stderr);
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin)) {
        std::fputc('\n', stderr);
        return MsgAnswer::No;
    }
    std::string answer;
    for (const char* p = line; *p && *p != '\n'; ++p) answer += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return answer == "y" || answer == "yes" ? MsgAnswer::Yes : MsgAnswer::No;
}

}  // namespace

MsgAnswer StderrMessages::Show(const Message& message) {
    ++shownCount;
    if (message.icon == MsgIcon::Warning || message.icon == MsgIcon::Error) ++warningsOrErrors;
    const bool question = message.buttons == MsgButtons::YesNo;
    const bool ask = question && !assumeYes_ && ::isatty(STDIN_FILENO) != 0;
    std::fprintf(stderr, "%s: %s%s", OutputText(message.caption).c_str(), OutputText(message.text).c_str(),
                 ask ? "" : "\n");
    if (!question) return MsgAnswer::Ok;
    if (assumeYes_) {
        std::fputs("(answered Yes: --yes)\n", stderr);
        return MsgAnswer::Yes;
    }
    if (ask) return AskTerminal();
    std::fputs("(not asked: standard input is no terminal; pass --yes to confirm)\n", stderr);
    return MsgAnswer::No;
}

const std::vector<SaveFailure>& SaveFailures() { return Failures(); }

void NoteSaveFailure(const std::filesystem::path& file, int error) {
    std::error_code ignored;
    std::filesystem::path shown = std::filesystem::absolute(file, ignored);
    if (shown.empty()) shown = file;
    SaveFailure failure{shown.lexically_normal().string(), std::generic_category().message(error != 0 ? error : EIO)};
    for (const auto& f : Failures()) {
        if (f.file == failure.file && f.reason == failure.reason) return;
    }
    Failures().push_back(std::move(failure));
}

int ReportSaveFailures(int status) {
    for (const auto& f : Failures()) std::fprintf(stderr, "zentrel: could not save %s: %s\n", f.file.c_str(), f.reason.c_str());
    return Failures().empty() || status != kExitOk ? status : kExitFailure;
}

std::unique_ptr<Wire> MakeHostWire() {
    return std::make_unique<PcapWire>();
}

CliContext::CliContext(bool assumeYes) : messages(assumeYes), wire(MakeHostWire()) {
    core = std::make_unique<Core>(*wire, messages, views, clock, &timer, ".");
    core->onSaveFailure = [](const std::filesystem::path& file, int error) { NoteSaveFailure(file, error); };
    core->onPermissionNotice = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
}

}  // namespace zentrel::cli
