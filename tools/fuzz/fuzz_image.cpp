// Image decoding: any bytes give a valid picture or an error, never a
// partial picture, a crash or unbounded memory.
#include "gfx/codec.h"
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString error;
    const gfx::Image image = gfx::DecodeData(fuzz::Bytes(data, size), &error);
    if (image.isNull()) {
        fuzz::Require(!error.isEmpty());
        return 0;
    }
    fuzz::Require(gfx::IsDecodableSize(image.width(), image.height()));
    fuzz::RequirePremultiplied(image);
    return 0;
}
