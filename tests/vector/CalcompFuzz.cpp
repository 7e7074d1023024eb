// Any bytes as a Calcomp plot file: decoded without a crash, a hang or a read past the end, and
// every line handed out with finite coordinates.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "vector/model/Calcomp.h"

namespace {

class Sink : public CalcompOutput {
 public:
  bool AddLine(double x1, double y1, double x2, double y2, int16_t) override {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
      std::abort();
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sink sink;
  DecodeCalcompBytes(data, size, sink);
  return 0;
}
