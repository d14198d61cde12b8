#include "link/AdapterVerdicts.h"

namespace zentrel {

bool AdapterVerdicts::IsEthernet(const std::string& name, unsigned index) {
    if (index != 0) {
        const auto known = known_.find(name);
        if (known != known_.end() && known->second.index == index) {
            listed_[name] = known->second;
            return known->second.ethernet;
        }
    }
    const ProbeVerdict verdict = probe_(name);
    if (verdict.lasting && index != 0) listed_[name] = Entry{index, verdict.ethernet};
    return verdict.ethernet;
}

void AdapterVerdicts::EndListing() {
    known_ = std::move(listed_);
    listed_.clear();
}

}  // namespace zentrel
