// The one form of link the program hands to the system's open action.
#ifndef KORVANE_APP_MAGNET_LINK_H_
#define KORVANE_APP_MAGNET_LINK_H_

#include <string_view>

namespace korvane {

// True for "magnet:?xt=urn:btih:" followed by exactly 40 hexadecimal digits
// or 32 base-32 characters (A-Z, 2-7; either letter case) and nothing else.
// Anything more (a further parameter, a space, a line break) makes it false,
// so a site's text cannot smuggle parameters into the link.
bool is_well_formed_magnet(std::string_view link);

}  // namespace korvane

#endif  // KORVANE_APP_MAGNET_LINK_H_
