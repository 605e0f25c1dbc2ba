#include "engine/runtime/effect_table.h"

#include <atomic>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace pq {
namespace {

std::atomic<const EffectDefinition*> gTable{nullptr};
std::atomic<size_t> gTableSize{0};

std::mutex gOverrideMutex;
std::vector<std::pair<int, EffectProc>> gOverrides;

} // namespace

void InstallEffectTable(std::span<const EffectDefinition> table)
{
    gTableSize.store(0);
    gTable.store(table.data());
    gTableSize.store(table.size());
}

const EffectDefinition* FindEffectDefinition(int number)
{
    const EffectDefinition* table = gTable.load();
    const size_t size = gTableSize.load();
    for (size_t i = 0; table && i < size; ++i)
        if (table[i].number == number)
            return &table[i];
    return nullptr;
}

EffectProc EffectProcFor(int number)
{
    {
        std::lock_guard lock(gOverrideMutex);
        for (auto it = gOverrides.rbegin(); it != gOverrides.rend(); ++it)
            if (it->first == number)
                return it->second;
    }
    const EffectDefinition* entry = FindEffectDefinition(number);
    return entry ? entry->routine : nullptr;
}

ScopedEffectOverride::ScopedEffectOverride(int number, EffectProc proc) : number_(number), proc_(proc)
{
    std::lock_guard lock(gOverrideMutex);
    gOverrides.emplace_back(number_, proc_);
}

ScopedEffectOverride::~ScopedEffectOverride()
{
    std::lock_guard lock(gOverrideMutex);
    for (auto it = gOverrides.rbegin(); it != gOverrides.rend(); ++it)
        if (it->first == number_ && it->second == proc_) {
            gOverrides.erase(std::next(it).base());
            break;
        }
}

} // namespace pq
