// The player's entry point.
#include <cstdio>

int main(int, char**) {
  std::fprintf(stderr, "vantel: the player's window is not part of this build yet\n");
  return 1;
}
