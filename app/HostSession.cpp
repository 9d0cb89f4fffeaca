#include "HostSession.h"

namespace mosvik::app {

bool HostSession::start() {
    if (started_)
        return loader_.loaded();
    started_ = true;
    if (!loader_.load(pluginPath_, host_.com()))
        return false;
    host_.raiseStart();
    return true;
}

void HostSession::stop() {
    loader_.unload();
}

} // namespace mosvik::app
