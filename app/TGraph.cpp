// The view's world/device transform: fitting a document rectangle into a window, and the integer
// conversions between document, client and image coordinates that tools and drawing rely on.
#include "TGraph.h"

#include <cmath>
#include <cstdint>

namespace {

// v + 0.5 truncated towards zero, as every rounding of the mapping does. Values that do not fit
// an int (an infinite ratio from an empty rectangle, a hostile coordinate) saturate instead of
// being undefined.
int RoundHalf(double v) {
  double r = std::trunc(v + 0.5);
  if (std::isnan(r)) return 0;
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return (int)r;
}

// 32-bit products wrap as the stored integers do, without undefined behaviour.
int MulWrap(int a, int b) { return (int)(int32_t)(uint32_t)((int64_t)a * (int64_t)b); }

int DivTrunc(int a, int b) {
  if (b == 0) return 0;
  if (b == -1) return (int)(int32_t)(uint32_t)(-(int64_t)a);
  return a / b;
}

}  // namespace

CTGraph::CTGraph(int nImageWidth, int nImageHeight, double dImageScale)
    : m_dImageScale(dImageScale), m_nImageWidth(nImageWidth), m_nImageHeight(nImageHeight) {}

CTGraph::~CTGraph() { delete m_pSaved; }

void CTGraph::Fit(const RECT& client, const RECT& document, double dAspect) {
  const int64_t docW = (int64_t)document.right - document.left;
  const int64_t docH = (int64_t)document.bottom - document.top;
  const int64_t cliW = (int64_t)client.right - client.left;
  const int64_t cliH = (int64_t)client.bottom - client.top;
  // An empty window (minimised, not yet sized) shows nothing: keep the mapping in force.
  if (cliW <= 0 || cliH <= 0 || !(dAspect > 0.0)) return;

  const bool heightLimits = (double)cliH / (double)cliW < ((double)docH / (double)docW) / dAspect;
  int factorX, factorY;
  if (heightLimits) {
    factorY = RoundHalf((double)docH / (double)cliH);
    factorX = RoundHalf(factorY / dAspect);
  } else {
    factorX = RoundHalf((double)docW * dAspect / (double)cliW);
    factorY = RoundHalf(factorX * dAspect);
  }
  if (factorX == 0 || factorY == 0) return;

  // Quotients of 64-bit values that can't exceed the 32-bit range once divided by a factor of 1
  // or more, except for a hostile rectangle; they wrap like the stored integers.
  auto q = [](int64_t a, int64_t b) { return (int)(int32_t)(uint32_t)(a / b); };
  if (heightLimits) {
    m_nOffsetY = -q(document.top, factorY);
    m_nOffsetX = q(cliW - docW / factorX, 2) - q(document.left, factorX);
  } else {
    m_nOffsetX = -q(document.left, factorX);
    m_nOffsetY = q(cliH - docH / factorY, 2) - q(document.top, factorY);
  }
  m_nFactorX = factorX;
  m_nFactorY = factorY;
}

CPoint CTGraph::DocToClient(int x, int y) const {
  return CPoint(DivTrunc(x, m_nFactorX) + m_nOffsetX, DivTrunc(y, m_nFactorY) + m_nOffsetY);
}

CPoint CTGraph::ClientToDoc(int x, int y) const {
  return CPoint(MulWrap((int)((uint32_t)x - (uint32_t)m_nOffsetX), m_nFactorX),
                MulWrap((int)((uint32_t)y - (uint32_t)m_nOffsetY), m_nFactorY));
}

CPoint CTGraph::DocToImage(int x, int y) const {
  auto one = [this](int v, int upper) {
    int r = RoundHalf(v / m_dImageScale);
    if (r < 0) return 0;
    return r > upper ? upper : r;
  };
  return CPoint(one(x, m_nImageWidth), one(y, m_nImageHeight));
}

CPoint CTGraph::ImageToDoc(int x, int y) const {
  return CPoint(RoundHalf(x * m_dImageScale), RoundHalf(y * m_dImageScale));
}

void CTGraph::CopyStateFrom(const CTGraph& other) {
  m_pDC = other.m_pDC;
  m_dImageScale = other.m_dImageScale;
  m_nImageWidth = other.m_nImageWidth;
  m_nImageHeight = other.m_nImageHeight;
  m_nFactorX = other.m_nFactorX;
  m_nFactorY = other.m_nFactorY;
  m_nOffsetX = other.m_nOffsetX;
  m_nOffsetY = other.m_nOffsetY;
}

void CTGraph::Push() {
  CTGraph* copy = new CTGraph;
  copy->CopyStateFrom(*this);
  copy->m_pSaved = m_pSaved;
  m_pSaved = copy;
}

void CTGraph::Pop() {
  CTGraph* top = m_pSaved;
  if (!top) return;
  CopyStateFrom(*top);
  m_pSaved = top->m_pSaved;
  top->m_pSaved = nullptr;
  delete top;
}
