#include "engine/runtime/engine_host.h"

#include "engine/runtime/effect_lock.h"

#include <atomic>
#include <mutex>

namespace pq {
namespace {

std::atomic<EngineHost*> gHost{nullptr};
std::mutex gFieldsMutex;

std::shared_ptr<EngineFields>& InstalledFields()
{
    static std::shared_ptr<EngineFields> fields = std::make_shared<EngineFields>();
    return fields;
}

} // namespace

EngineHost::EngineHost() : shared(std::make_shared<EngineFields>()) {}

EngineHost::EngineHost(std::shared_ptr<EngineFields> fields)
    : shared(fields ? std::move(fields) : std::make_shared<EngineFields>())
{
}

EngineHost::~EngineHost()
{
    // A host that forgot to uninstall itself must not be called after this.
    EngineHost* self = this;
    if (gHost.compare_exchange_strong(self, nullptr)) {
        std::lock_guard lock(gFieldsMutex);
        InstalledFields() = std::make_shared<EngineFields>();
    }
}

QString EngineHost::effectName(int number) const
{
    return QString::number(number);
}

bool EngineHostInstalled()
{
    return gHost.load() != nullptr;
}

void SetEngineHost(EngineHost* host)
{
    gHost.store(host);
    if (host)
        SetEngineShuttingDown(false);
    std::lock_guard lock(gFieldsMutex);
    InstalledFields() = host ? host->shared : std::make_shared<EngineFields>();
}

EngineHost* InstalledEngineHost()
{
    return gHost.load();
}

std::shared_ptr<EngineFields> SharedFields()
{
    std::lock_guard lock(gFieldsMutex);
    return InstalledFields();
}

} // namespace pq
