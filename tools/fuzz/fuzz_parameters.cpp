// Parameter files (.pqk): any bytes are read by the reader rules or
// refused with a reason; a refused file leaves the table as it was.
#include "catalogue/effect_catalogue.h"
#include "catalogue/parameter_table.h"
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/fuzz_target.h"
#include "workspace/parameter_file.h"

namespace {

pq::ParameterTable DefaultTable()
{
    pq::ParameterTable table{};
    pq::InitializeParameters(table);
    return table;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    pq::InstallEffectCatalogue();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray defaults = pq::ParameterFileBytes(DefaultTable());
    pq::ParameterTable table = DefaultTable();
    const pq::ParameterFileLoad load = pq::ReadParameterBytes(fuzz::Bytes(data, size), table);
    const QByteArray read = pq::ParameterFileBytes(table);
    fuzz::Require(load.stored >= 0);
    if (load.stored == 0)
        fuzz::Require(read == defaults);
    // What was read writes back and reads again to the same table.
    pq::ParameterTable again = DefaultTable();
    pq::ReadParameterBytes(read, again);
    fuzz::Require(pq::ParameterFileBytes(again) == read);
    return 0;
}
