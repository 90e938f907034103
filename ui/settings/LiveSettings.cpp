#include "ui/settings/LiveSettings.h"

namespace wxh {

LiveSettings& Live() {
    static LiveSettings live;
    return live;
}

}  // namespace wxh
