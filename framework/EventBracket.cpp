#include "EventBracket.h"

namespace mosvik {

TEventBracket::TEventBracket(TTBaseForm& form, bool hide, bool withCMD) : form_(form) {
    try {
        form_.StartEvent(hide, withCMD);
    } catch (...) {
        form_.AbortEvent();
        throw;
    }
}

TEventBracket::~TEventBracket() {
    if (!ended_)
        form_.AbortEvent();
}

void TEventBracket::end() {
    form_.EndEvent();
    ended_ = true;
}

} // namespace mosvik
