// The dialogs service with real Qt windows: each box runs its own modal loop
// on the user-interface thread until the user answers it.
#pragma once

#include "Dialogs.h"

namespace mosvik::platform {

class QtDialogs final : public DialogService {
public:
    MsgButton messageBox(const MessageBoxRequest& request) override;
    std::optional<QString> inputBox(const InputBoxRequest& request) override;
    std::optional<QString> browseFolder(const FolderRequest& request) override;
};

} // namespace mosvik::platform
