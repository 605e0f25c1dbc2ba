// The engine library gains its sources with the effect runtime.
namespace pq {
int engineVersionMajor() { return 4; }
}
