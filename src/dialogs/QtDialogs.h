#pragma once

#include "dialogs/Dialogs.h"

namespace pictavo {

class QtDialogs final : public Dialogs {
public:
    int messageBox(const MessageBoxRequest& request) override;
};

}  // namespace pictavo
