#include "core/platform/registry.h"

#include <utility>

namespace corvane {

namespace {
Registry *&installedRegistry()
{
    static Registry *registry = nullptr;
    return registry;
}
} // namespace

Registry &CurrentRegistry()
{
    Registry *registry = installedRegistry();
    return registry ? *registry : SystemRegistry();
}

Registry *SetRegistry(Registry *registry)
{
    return std::exchange(installedRegistry(), registry);
}

} // namespace corvane
