// tb_strc SOURCE.txt OUT.mui: compiles a language's string source into the
// module the programs load from beside themselves. The language comes from
// the source's file name (0409.txt) unless the source has a "#lang 0409" line.
#include <cstdio>
#include <string>

#include "shell/core/string_table_compiler.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tb_strc SOURCE.txt OUT.mui\n");
    return 2;
  }
  std::string message;
  if (!tb::shell::CompileStringTableFile(argv[1], argv[2], &message)) {
    std::fprintf(stderr, "tb_strc: %s\n", message.c_str());
    return 1;
  }
  return 0;
}
