// The page's own files (tools/map/viewer/), built into the program so that it needs no
// installed copy of them.
#pragma once

#include <string_view>

namespace fieldcast::map {

// The content of viewer/<name>; throws std::out_of_range for a name that is not built in.
std::string_view viewerAsset(std::string_view name);

}  // namespace fieldcast::map
