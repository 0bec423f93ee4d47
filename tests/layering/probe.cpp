// Includes the one header the build names, to learn whether a layer can see it.
#include VM_PROBE_HEADER

int main() { return 0; }
