#include "base/registry.h"

Windows& app() {
    static Windows w;
    return w;
}
