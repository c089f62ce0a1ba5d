// A library that does nothing but be found: a test loads it by name to see
// which folder a library is taken from.
extern "C" __declspec(dllexport) int SonrikProbe() { return 1; }
