// The drawing wrapper of the plot-file converters, its window-free part: a new drawing made
// through the toolkit, and the adding wrappers that put lines, arcs, circles, texts and layers
// into its model space, widening the drawing's extents. The HP-GL converter builds through
// TaveloHpglOutput and hands the finished drawing out with DetachDrawing.
// Not for: drawing into a device context (the wrapper's display callbacks are Windows code).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
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

// One entity of a CTavelo drawing's model space. The reading constructor takes the entity of a
// handle, or else the first of a kind (any kind for 0); the adding constructors of the subclasses
// add one entity with the drawing's defaults, the given layer (when not zero) and the colour
// number nearest the RGB colour (when not -1), and widen the drawing's extents. Handle() is zero
// when there is no entity (none found, or the toolkit refused it).
class CTLEntity {
 public:
  CTLEntity() = default;  // no owner, no entity
  CTLEntity(CTavelo* owner, const TkHandle* handle, uint16_t kind);
  virtual ~CTLEntity();
  CTLEntity(const CTLEntity&) = delete;
  CTLEntity& operator=(const CTLEntity&) = delete;

  // Reads on from this entity through model space to the next of the kind (any for 0); false,
  // with a zero handle, at the end.
  virtual bool FindNext(uint16_t kind);
  // The first entity of the kind (any for 0); false, with a zero handle, when there is none.
  virtual bool First(uint16_t kind);
  // The toolkit's result; the handle is cleared.
  virtual int16_t Delete();
  // Writes the wrapper's header and data over the stored entity; 0 for a wrapper that holds no
  // entity read from the drawing (an adding constructor keeps only the header it added).
  virtual int16_t Update();
  virtual uint32_t ColorRGB() const;
  virtual int ColorIndex() const { return int16_t(m_header.colour); }

  const TkHandle& Handle() const { return m_header.handle; }
  bool IsValid() const;
  TkEntityHeader& Header() { return m_header; }
  // The entity's record, when it was read; null for an added entity.
  TkEntityData* Data() { return m_data.get(); }

 protected:
  bool Add(CTavelo* owner, uint16_t kind, const TkHandle* layer, int64_t rgb,
           void (*fill)(void* context, void* data), void* context);
  // Reads entities of model space until one of the kind (any for 0); from its start on rewind.
  bool ReadUntil(uint16_t kind, bool rewind);
  void Clear();

  CTavelo* m_owner = nullptr;  // borrowed
  TkEntityHeader m_header{};
  std::unique_ptr<TkEntityData> m_data;
};

// Reading wrappers of the kinds the converters never add.
class CTLSpline : public CTLEntity {
 public:
  CTLSpline(CTavelo* owner, const TkHandle* handle) : CTLEntity(owner, handle, 6) {}
};
class CTLPLine : public CTLEntity {
 public:
  CTLPLine(CTavelo* owner, const TkHandle* handle) : CTLEntity(owner, handle, 19) {}
};

// An IMAGE entity with its image definition object. Its walks look for images whatever kind
// they are given.
class CTLRaster : public CTLEntity {
 public:
  CTLRaster(CTavelo* owner, const TkHandle* handle);
  bool FindNext(uint16_t kind) override;
  bool First(uint16_t kind) override;
  // The image definition's file name; empty without one.
  const std::string& ImageFile() const { return m_imageFile; }
  // Pixels a unit along x of the image definition (its pixel size's inverse); 0 when unknown.
  double XResolution() const { return m_xResolution; }

 private:
  void ReadDefinition();
  std::string m_imageFile;
  double m_xResolution = 0;
};

class CTLLine : public CTLEntity {
 public:
  CTLLine(CTavelo* owner, const TkHandle* handle) : CTLEntity(owner, handle, TK_LINE) {}
  CTLLine(CTavelo* owner, const double start[3], const double end[3], const TkHandle* layer,
          int64_t rgb);
};
class CTLArc : public CTLEntity {
 public:
  CTLArc(CTavelo* owner, const TkHandle* handle) : CTLEntity(owner, handle, TK_ARC) {}
  CTLArc(CTavelo* owner, const double centre[3], double startAngle, double endAngle,
         double radius, const TkHandle* layer, int64_t rgb);
};
class CTLCircle : public CTLEntity {
 public:
  CTLCircle(CTavelo* owner, const TkHandle* handle) : CTLEntity(owner, handle, TK_CIRCLE) {}
  CTLCircle(CTavelo* owner, const double centre[3], double radius, const TkHandle* layer,
            int64_t rgb);
};
class CTLText : public CTLEntity {
 public:
  CTLText(CTavelo* owner, const TkHandle* handle) : CTLEntity(owner, handle, TK_TEXT) {}
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
  // The hatch of a handle, or the first hatch.
  CTLHatch(CTavelo* owner, const TkHandle* handle);
  bool FindNext(uint16_t kind) override;
  bool First(uint16_t kind) override;
};

class CTLLayer {
 public:
  // Always adds a layer: the name made a record name, the colour the nearest colour number.
  CTLLayer(CTavelo* owner, const char* name, int64_t rgb);
  // The layer of the handle; when none is given or found, the drawing's first layer.
  CTLLayer(CTavelo* owner, const TkHandle* handle);
  const TkHandle& Handle() const { return m_handle; }
  bool IsValid() const;
  int ColorIndex() const { return m_color; }
  uint32_t ColorRGB() const;
  bool IsOn() const;

 private:
  CTavelo* m_owner = nullptr;  // borrowed
  TkHandle m_handle{};
  int16_t m_color = 7;
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
