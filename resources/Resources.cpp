#include "resources/Resources.h"

#include "EmbeddedData.h"

namespace mosvik {

std::optional<std::string_view> resourceData(std::string_view name) {
    for (std::size_t i = 0; i < embedded::entryCount; ++i) {
        const embedded::Entry& entry = embedded::entries[i];
        if (std::string_view(entry.name) == name)
            return std::string_view(reinterpret_cast<const char*>(entry.data), entry.size);
    }
    return std::nullopt;
}

} // namespace mosvik
