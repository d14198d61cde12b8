#include "cli/CliSupport.h"

#include <cstdio>

#include "cli/CliText.h"

#include "link/pcap/PcapWire.h"

namespace zentrel::cli {

MsgAnswer StderrMessages::Show(const Message& message) {
    ++shownCount;
    if (message.icon == MsgIcon::Warning || message.icon == MsgIcon::Error) ++warningsOrErrors;
    std::fprintf(stderr, "%s: %s\n", OutputText(message.caption).c_str(), OutputText(message.text).c_str());
    if (message.buttons == MsgButtons::YesNo) {
        std::fprintf(stderr, "(answered %s)\n", assumeYes_ ? "Yes" : "No; pass --yes to confirm");
        return assumeYes_ ? MsgAnswer::Yes : MsgAnswer::No;
    }
    return MsgAnswer::Ok;
}

std::unique_ptr<Wire> MakeHostWire() {
    return std::make_unique<PcapWire>();
}

CliContext::CliContext(bool assumeYes) : messages(assumeYes), wire(MakeHostWire()) {
    core = std::make_unique<Core>(*wire, messages, views, clock, &timer, ".");
    core->onPermissionNotice = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
}

}  // namespace zentrel::cli
