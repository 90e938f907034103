#include "crow/HeadlessProgress.h"

namespace wxh {

ProgressDialogFactory HeadlessProgressFactory() {
    return [] { return std::make_unique<HeadlessProgress>(); };
}

}  // namespace wxh
