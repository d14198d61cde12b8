#include "link/AdapterVerdicts.h"

#include <utility>

namespace zentrel {

std::optional<bool> AdapterVerdicts::Remembered(const std::string& name, unsigned index) {
    if (index == 0) return std::nullopt;
    const auto known = known_.find(name);
    if (known == known_.end() || known->second.index != index) return std::nullopt;
    listed_[name] = known->second;
    return known->second.ethernet;
}

bool AdapterVerdicts::Note(const std::string& name, unsigned index, ProbeVerdict verdict) {
    if (verdict.lasting && index != 0) listed_[name] = Entry{index, verdict.ethernet};
    return verdict.ethernet;
}

void AdapterVerdicts::EndListing() {
    known_ = std::move(listed_);
    listed_.clear();
}

}  // namespace zentrel
