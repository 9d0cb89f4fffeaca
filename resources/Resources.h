// Raw data carried inside the plug-in library.
#pragma once

#include <optional>
#include <string_view>

namespace mosvik {

// The bytes of the resource with that name, or nothing for an unknown name.
// Names: "toolbar_x4" (the stylesheet TTx4.xslt), "toolbar_x7" and
// "toolbar_x8" (the archives TTx7.cdws and TTx8.cdws). The data lives as long
// as the program.
std::optional<std::string_view> resourceData(std::string_view name);

} // namespace mosvik
