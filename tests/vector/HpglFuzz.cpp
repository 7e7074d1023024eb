// Any bytes as a plot file: converted without a crash, a hang or a read past the end, and every
// entity handed out with finite coordinates.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "vector/model/Hpgl.h"

namespace {

void Check(const HpglPoint& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) std::abort();
}

class Sink : public HpglOutput {
 public:
  uint64_t AddLayer(const char*, uint32_t) override { return 1; }
  void AddLine(const HpglPoint& s, const HpglPoint& e, uint64_t, uint32_t) override {
    Check(s);
    Check(e);
  }
  void AddArc(const HpglPoint& c, double, double, double, uint64_t, uint32_t) override {
    Check(c);
  }
  void AddCircle(const HpglPoint& c, double, uint64_t, uint32_t) override { Check(c); }
  void AddText(const HpglPoint& at, const std::string&, double, const char*, double, int, int,
               uint64_t, uint32_t) override {
    Check(at);
  }
  void AddHatch(const std::vector<HpglPoint>& buffer, uint64_t, uint32_t) override {
    for (const HpglPoint& p : buffer) Check(p);
  }
  void Error(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sink sink;
  ConvertHpglBytes(data, size, sink);
  return 0;
}
