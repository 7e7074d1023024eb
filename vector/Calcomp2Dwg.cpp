// The Calcomp converter over the vector drawing object: the decoder's lines go into a new drawing
// through CDwg::AddLine and the drawing is saved with CDwg::SaveAs.
#include "vector/Calcomp2Dwg.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "vector/Dwg.h"
#include "vector/model/Calcomp.h"

namespace {

class DwgLines : public CalcompOutput {
 public:
  explicit DwgLines(CDwg* dwg) : m_pDwg(dwg) {}
  bool AddLine(double x1, double y1, double x2, double y2, int16_t colour) override {
    return m_pDwg->AddLine(x1, y1, x2, y2, colour) != FALSE;
  }

 private:
  CDwg* m_pDwg;  // borrowed
};

}  // namespace

CCalcomp2Dwg::CCalcomp2Dwg(const char* path) : m_strPath(path) {}

CCalcomp2Dwg::~CCalcomp2Dwg() = default;

long CCalcomp2Dwg::FindDataStart(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return 0;
  static const char kFirstLine[] = "&&&&CALCOMP DEVICE CONTROL";
  std::vector<uint8_t> bytes(sizeof kFirstLine - 1);
  size_t start = 0;
  // Only a file that begins with the preamble is read on, once, to find where the preamble ends.
  if (std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size() &&
      std::memcmp(bytes.data(), kFirstLine, bytes.size()) == 0) {
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    start = CalcompFindDataStart(bytes.data(), bytes.size());
  }
  std::fclose(f);
  return long(start);
}

BOOL CCalcomp2Dwg::Convert() {
  // The wait cursor is the application's; the converter also runs without one (in tests).
  std::unique_ptr<CWaitCursor> wait;
  if (AfxGetApp()) wait.reset(new CWaitCursor);
  m_converted = 0;
  // Most files that come here are no Calcomp plot: they are refused before a drawing is made.
  if (FindDataStart(m_strPath) == 0) return FALSE;
  CDwg* dwg = new CDwg;
  BOOL ok = FALSE;
  if (dwg->NewDrawing()) {
    DwgLines lines(dwg);
    ok = DecodeCalcompPath(m_strPath, lines) == kCalcompConverted &&
         dwg->SaveAs(m_strOutPath, 6, 1);
  }
  delete dwg;  // closes the drawing
  m_converted = ok ? 1 : 0;
  return ok;
}
