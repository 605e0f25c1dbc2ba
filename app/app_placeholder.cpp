// The window library gains its sources with the main window.
namespace pq {
int appVersionMinor() { return 40; }
}
