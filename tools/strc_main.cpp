// Placeholder until the string table compiler lands.
#include <fstream>
int main(int argc, char** argv) { if (argc < 3) return 2; std::ofstream(argv[2]) << ""; return 0; }
