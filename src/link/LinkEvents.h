#pragma once
// What the link has to tell the layers above it. The link defines the interface and the
// application object implements it, so that nothing in the link reaches up.
#include <string>

namespace zentrel {

class LinkEvents {
public:
    // The network information of an adapter came in, or the current adapter changed back after
    // a network-info pass: the status texts are out of date.
    virtual void NetworkStatusChanged() = 0;
    // Every table's stations were emptied: records without a MAC are dropped and plc.data saved.
    virtual void TablesCleared() = 0;
    // A capture could not be opened for lack of permission (told once per run).
    virtual void PermissionNotice(const std::string& text) = 0;

protected:
    ~LinkEvents() = default;
};

}  // namespace zentrel
