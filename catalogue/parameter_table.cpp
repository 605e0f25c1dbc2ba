#include "catalogue/parameter_table.h"

#include "catalogue/effect_catalogue.h"

namespace pq {


int EffectParameters::value(int k) const
{
    switch (k) {
    case 1: return value1;
    case 2: return value2;
    case 3: return value3;
    case 4: return value4;
    case 5: return value5;
    default: return 0;
    }
}

void EffectParameters::setValue(int k, int v)
{
    switch (k) {
    case 1: value1 = v; break;
    case 2: value2 = v; break;
    case 3: value3 = v; break;
    case 4: value4 = v; break;
    case 5: value5 = v; break;
    default: break;
    }
}

QString EffectParameters::name(int k) const
{
    switch (k) {
    case 1: return name1;
    case 2: return name2;
    case 3: return name3;
    case 4: return name4;
    case 5: return name5;
    default: return {};
    }
}

EffectParameters* ParamsEntry(ParameterTable& params, int number)
{
    if (number < 0 || number / 100 >= static_cast<int>(params.size()) || number % 100 >= 20)
        return nullptr;
    return &params[number / 100][number % 100];
}

const EffectParameters* ParamsEntry(const ParameterTable& params, int number)
{
    return ParamsEntry(const_cast<ParameterTable&>(params), number);
}

void InitializeParameters(ParameterTable& params)
{
    for (const EffectDefinition& e : EffectCatalogue())
        ResetEffectToDefaults(params, e.number);
}

namespace {

EffectParameters DefaultsOf(const EffectDefinition& e)
{
    EffectParameters p;
    p.name1 = QString::fromUtf8(e.sliderCaptions[0]);
    p.name2 = QString::fromUtf8(e.sliderCaptions[1]);
    p.name3 = QString::fromUtf8(e.sliderCaptions[2]);
    p.name4 = QString::fromUtf8(e.sliderCaptions[3]);
    p.name5 = QString::fromUtf8(e.sliderCaptions[4]);
    p.value1 = e.sliderDefaults[0];
    p.value2 = e.sliderDefaults[1];
    p.value3 = e.sliderDefaults[2];
    p.value4 = e.sliderDefaults[3];
    p.value5 = e.sliderDefaults[4];
    return p;
}

} // namespace

void ResetEffectToDefaults(ParameterTable& params, int number)
{
    EffectParameters* entry = ParamsEntry(params, number);
    const EffectDefinition* effect = FindEffect(number);
    if (entry && effect)
        *entry = DefaultsOf(*effect);
}

void ResetSliderToDefault(ParameterTable& params, int number, int k)
{
    EffectParameters* entry = ParamsEntry(params, number);
    const EffectDefinition* effect = FindEffect(number);
    if (entry && effect && k >= 1 && k <= 5)
        entry->setValue(k, effect->sliderDefaults[size_t(k - 1)]);
}

} // namespace pq
