// The start-up yardstick of the terminal benchmarks: a minimal C++ program that
// prints one line.
#include <iostream>

int main() {
  std::cout << "Difficulty (1-10): " << std::endl;
  return 0;
}
