#include "engine/repository.h"

namespace pq {

TForm3& Form3()
{
    static TForm3 instance;
    return instance;
}

} // namespace pq
