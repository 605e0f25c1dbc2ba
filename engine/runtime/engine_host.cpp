#include "engine/runtime/engine_host.h"

#include "engine/runtime/effect_lock.h"

#include <atomic>
#include <mutex>

namespace pq {
namespace {

std::atomic<EngineHost*> gHost{nullptr};
std::mutex gFieldsMutex;

std::shared_ptr<EngineFields>& installedFields()
{
    static std::shared_ptr<EngineFields> fields = std::make_shared<EngineFields>();
    return fields;
}

} // namespace

EngineHost::EngineHost() : Shared(std::make_shared<EngineFields>()) {}

EngineHost::~EngineHost()
{
    // A host that forgot to uninstall itself must not be called after this.
    EngineHost* self = this;
    if (gHost.compare_exchange_strong(self, nullptr)) {
        std::lock_guard lock(gFieldsMutex);
        installedFields() = std::make_shared<EngineFields>();
    }
}

QString EngineHost::effectName(int number) const
{
    return QString::number(number);
}

void setEngineHost(EngineHost* host)
{
    gHost.store(host);
    if (host)
        SetEngineShuttingDown(false);
    std::lock_guard lock(gFieldsMutex);
    installedFields() = host ? host->Shared : std::make_shared<EngineFields>();
}

EngineHost* engineHost()
{
    return gHost.load();
}

std::shared_ptr<EngineFields> sharedFields()
{
    std::lock_guard lock(gFieldsMutex);
    return installedFields();
}

} // namespace pq
