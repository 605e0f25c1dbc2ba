#include "catalogue/parameter_table.h"

#include "catalogue/effect_catalogue.h"

namespace pq {


int EffectParameters::value(int k) const
{
    switch (k) {
    case 1: return Value1;
    case 2: return Value2;
    case 3: return Value3;
    case 4: return Value4;
    case 5: return Value5;
    default: return 0;
    }
}

void EffectParameters::setValue(int k, int v)
{
    switch (k) {
    case 1: Value1 = v; break;
    case 2: Value2 = v; break;
    case 3: Value3 = v; break;
    case 4: Value4 = v; break;
    case 5: Value5 = v; break;
    default: break;
    }
}

QString EffectParameters::name(int k) const
{
    switch (k) {
    case 1: return Name1;
    case 2: return Name2;
    case 3: return Name3;
    case 4: return Name4;
    case 5: return Name5;
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

EffectParameters defaultsOf(const EffectDefinition& e)
{
    EffectParameters p;
    p.Name1 = QString::fromUtf8(e.sliderCaptions[0]);
    p.Name2 = QString::fromUtf8(e.sliderCaptions[1]);
    p.Name3 = QString::fromUtf8(e.sliderCaptions[2]);
    p.Name4 = QString::fromUtf8(e.sliderCaptions[3]);
    p.Name5 = QString::fromUtf8(e.sliderCaptions[4]);
    p.Value1 = e.sliderDefaults[0];
    p.Value2 = e.sliderDefaults[1];
    p.Value3 = e.sliderDefaults[2];
    p.Value4 = e.sliderDefaults[3];
    p.Value5 = e.sliderDefaults[4];
    return p;
}

} // namespace

void ResetEffectToDefaults(ParameterTable& params, int number)
{
    EffectParameters* entry = ParamsEntry(params, number);
    const EffectDefinition* effect = FindEffect(number);
    if (entry && effect)
        *entry = defaultsOf(*effect);
}

void ResetSliderToDefault(ParameterTable& params, int number, int k)
{
    EffectParameters* entry = ParamsEntry(params, number);
    const EffectDefinition* effect = FindEffect(number);
    if (entry && effect && k >= 1 && k <= 5)
        entry->setValue(k, effect->sliderDefaults[size_t(k - 1)]);
}

} // namespace pq
