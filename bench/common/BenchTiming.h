// Timing for the benchmarks: each reports the best of a few runs, which
// keeps scheduler noise out of the ratios they print.
#ifndef OX_BENCH_BENCHTIMING_H
#define OX_BENCH_BENCHTIMING_H

#include <algorithm>
#include <chrono>

namespace oxbench {

template <class F>
double Seconds(F&& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class F>
double Best(F&& f, int runs = 5) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(f));
  return best;
}

}  // namespace oxbench

#endif  // OX_BENCH_BENCHTIMING_H
