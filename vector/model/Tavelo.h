// The drawing wrapper of the plot-file converters, its window-free part: a new drawing made
// through the toolkit, and the adding wrappers that put lines, arcs, circles, texts and layers
// into its model space, widening the drawing's extents. The HP-GL converter builds through
// TaveloHpglOutput and hands the finished drawing out with DetachDrawing.
// Not for: drawing into a device context (the wrapper's display callbacks are Windows code).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/core/drawing.h"
#include "toolkit/core/handle.h"
#include "vector/model/Hpgl.h"

struct TkHeader;
struct TkList;

class CTavelo {
 public:
  // A new empty drawing (the only kind the converters make). Without a started toolkit, or when
  // the toolkit cannot make one, the object has no drawing and every operation does nothing.
  CTavelo();
  ~CTavelo();
  CTavelo(const CTavelo&) = delete;
  CTavelo& operator=(const CTavelo&) = delete;

  TkDrawing* Drawing() const { return m_drawing; }
  TkList* ModelSpace() const { return m_modelSpace; }
  // The drawing, now the caller's; null when there is none.
  TkDrawing* DetachDrawing();
  void CloseDrawing();
  // Per axis the smaller value lowers EXTMIN, the larger raises EXTMAX.
  void UpdateExtents(const double p1[3], const double p2[3]);

 private:
  TkDrawing* m_drawing = nullptr;
  TkHeader* m_header = nullptr;
  TkList* m_modelSpace = nullptr;
  bool m_extentsSet = false;
};

// Adding wrappers: each adds one entity to model space with the drawing's defaults, the given
// layer (when not zero) and the colour number nearest the RGB colour (when not -1); Handle()
// is zero when the toolkit refused it.
class CTLEntity {
 public:
  const TkHandle& Handle() const { return m_handle; }
  bool IsValid() const;

 protected:
  bool Add(CTavelo* owner, uint16_t kind, const TkHandle* layer, int64_t rgb,
           void (*fill)(void* context, void* data), void* context);
  TkHandle m_handle{};
};

class CTLLine : public CTLEntity {
 public:
  CTLLine(CTavelo* owner, const double start[3], const double end[3], const TkHandle* layer,
          int64_t rgb);
};
class CTLArc : public CTLEntity {
 public:
  CTLArc(CTavelo* owner, const double centre[3], double startAngle, double endAngle,
         double radius, const TkHandle* layer, int64_t rgb);
};
class CTLCircle : public CTLEntity {
 public:
  CTLCircle(CTavelo* owner, const double centre[3], double radius, const TkHandle* layer,
            int64_t rgb);
};
class CTLText : public CTLEntity {
 public:
  CTLText(CTavelo* owner, const double at[3], const std::string& text, double height,
          double rotation, const TkHandle* layer, int64_t rgb);
};

// One solid fill (pattern "SOLID") whose boundary paths are the sub-polygons of an HP-GL polygon
// buffer (Hpgl.h gives its layout): each pair a line edge, or a counter-clockwise arc edge when
// its first entry carries a radius; one seed point at the origin.
class CTLHatch : public CTLEntity {
 public:
  CTLHatch(CTavelo* owner, const std::vector<HpglPoint>& buffer, const TkHandle* layer,
           int64_t rgb);
};

class CTLLayer {
 public:
  // Always adds a layer: the name made a record name, the colour the nearest colour number.
  CTLLayer(CTavelo* owner, const char* name, int64_t rgb);
  const TkHandle& Handle() const { return m_handle; }

 private:
  TkHandle m_handle{};
};

// The HP-GL converter's output over a CTavelo.
class TaveloHpglOutput : public HpglOutput {
 public:
  explicit TaveloHpglOutput(CTavelo* drawing) : m_drawing(drawing) {}
  uint64_t AddLayer(const char* name, uint32_t rgb) override;
  void AddLine(const HpglPoint& start, const HpglPoint& end, uint64_t layer,
               uint32_t rgb) override;
  void AddArc(const HpglPoint& centre, double startAngle, double endAngle, double radius,
              uint64_t layer, uint32_t rgb) override;
  void AddCircle(const HpglPoint& centre, double radius, uint64_t layer, uint32_t rgb) override;
  void AddText(const HpglPoint& at, const std::string& text, double height, const char* font,
               double rotation, int weight, int italic, uint64_t layer, uint32_t rgb) override;
  void AddHatch(const std::vector<HpglPoint>& buffer, uint64_t layer, uint32_t rgb) override;

 private:
  CTavelo* m_drawing;
};

// Converts a plot file into a new toolkit drawing: null when the file does not open (status
// 12) or holds no HP-GL instruction, or when the toolkit is not started.
TkDrawing* ConvertHpglFile(const char* path, const HpglProgressFn& progress, int* status);
