// Stand-ins for a broken engine library, built twice: with the initialisation
// entry point and nothing else of use, and without any entry point at all.
#include <cstdint>

#ifdef WITH_INIT
extern "C" __attribute__((visibility("default"))) std::uint16_t dbfe_init(std::uint16_t, const void*) { return 0; }
extern "C" __attribute__((visibility("default"))) std::uint16_t dbfe_exit() { return 0; }
#else
extern "C" __attribute__((visibility("default"))) int not_an_engine() { return 0; }
#endif
