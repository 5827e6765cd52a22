// The store the program uses on this machine.

#include "registry/RegistryStore.h"

#ifdef _WIN32
#include "registry/WindowsRegistryStore.h"
#else
#include "registry/RegFileStore.h"
#endif

namespace vantrel {

std::unique_ptr<RegistryStore> OpenDefaultRegistryStore() {
#ifdef _WIN32
    return std::make_unique<WindowsRegistryStore>();
#else
    return std::make_unique<RegFileStore>(DefaultRegistryFile());
#endif
}

}  // namespace vantrel
