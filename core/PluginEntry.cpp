// The library's one exported function. Every plug-in object it creates is
// kept until the library unloads: the host may call an object after it has
// ended, so its memory must outlive its session.
#include "core/OrmelPlugin.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

std::vector<std::unique_ptr<mosvik::OrmelPlugin>>& pluginObjects() {
    static std::vector<std::unique_ptr<mosvik::OrmelPlugin>> objects;
    return objects;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t
AttachPlugin(mosvik::com::IVGAppPlugin** plugin) {
    if (!plugin)
        return static_cast<int32_t>(mosvik::com::E_POINTER);
    auto object = std::make_unique<mosvik::OrmelPlugin>();
    object->AddRef();
    *plugin = object.get();
    pluginObjects().push_back(std::move(object));
    return 0x100;
}
