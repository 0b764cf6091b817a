#include "removal/PrinterRemoval.h"

#include "product/Product.h"

namespace vexlo {

Listing FindDriverListed(const char* name, LPSTR environment) {
    const SpoolerLists spooler;
    if (!spooler) return Listing::Unknown;
    struct Search {
        const char* name;
        bool found = false;
    } search{name};
    ListRead read;
    WalkDriversOf(
        spooler, environment,
        [](void* context, const char* listed, const char*) {
            Search& s = *static_cast<Search*>(context);
            if (SameAsciiName(listed, s.name)) s.found = true;
        },
        &search, &read);
    if (search.found) return Listing::Listed;
    return read.whole() ? Listing::NotListed : Listing::Unknown;
}

}  // namespace vexlo
