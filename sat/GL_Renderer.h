// The solid renderer: draws one parsed body as polylines through a caller's RenderOutput: every
// edge of every face and wire once, and the silhouettes of the curved faces as seen along the
// view direction (plus a number of rulings on cylinders and cones), cut where they cross the
// face's edges. It also sets the geometry library's tolerances from a quality level.
//
// Not for: parsing (SatParser.h) or the toolkit's side of the output (SatEntry.h).
#ifndef SAT_GL_RENDERER_H
#define SAT_GL_RENDERER_H

#include <cstdint>
#include <vector>

#include "sat/Geometry.h"
#include "sat/RenderOutput.h"

class acis_Body;
class acis_Coedge;
class acis_Edge;
class acis_Ellipse;
class acis_Face;
class acis_Intcurve;
class c_Curve;
class c_Ellipse;
class c_Surface;
class c_FramedQuadric;

struct RenderParams {
  uint8_t flags[3] = {1, 1, 1};  // no effect on the output
  uint8_t silhouettes = 1;       // draw silhouettes at all
  int32_t extraSilhouetteCount = 4;
  int32_t reserved = -1;
  c_Vector view;
  c_Vector up;
  float colour[3] = {1.0f, 1.0f, 1.0f};
  int32_t zero = 0;
  uint32_t words[8] = {};
  int32_t qualityLevel = 5;
};

// One point where a silhouette crosses the boundary of its face (kind 1), or a stretch where an
// edge lies on the silhouette (kind 2, from its first to its second point).
struct PartitionNode {
  int32_t kind;
  c_Point first, second;
  double t1, t2;
  const acis_Coedge* coedge;
};

struct SilhouetteRecord {
  c_Curve* curve = nullptr;  // owned by the renderer for the face being drawn
  bool closed = false;
  std::vector<PartitionNode> nodes;  // ascending in t1
};

class GL_Renderer {
 public:
  // `linkBound` bounds every walk along the body's links (the number of records the text made),
  // so that a cyclic text cannot hold the renderer.
  GL_Renderer(const acis_Body* body, const RenderParams& params, int32_t linkBound);
  virtual ~GL_Renderer();
  GL_Renderer(const GL_Renderer&) = delete;
  GL_Renderer& operator=(const GL_Renderer&) = delete;

  void setOutput(const RenderOutput* output);
  void render(int32_t index);
  void addPartitionPoint(SilhouetteRecord& record, const c_Point& point, const acis_Coedge* coedge);
  void setTolerances();

  // The box of everything drawn so far, in drawing coordinates.
  bool boxStarted() const { return boxStarted_; }
  void box(double min[3], double max[3]) const;
  double boxRadius() const;

 private:
  static void beginThunk(int32_t mode, void* ctx);
  static void endThunk(void* ctx);
  static void vertexThunk(double x, double y, double z, void* ctx);

  void begin(int32_t mode);
  void end();
  void vertex(const c_Point& p);
  void addToBox(const c_Point& p);
  void drawFace(const acis_Face* face);
  void drawWireCoedges(const acis_Coedge* first);
  void drawEdge(acis_Edge* edge);
  void drawEllipticArc(const c_Ellipse& ellipse, double start, double end);
  void drawNurbs(const class c_NURBSCurve& curve);
  void computeSilhouettes(const acis_Face* face);
  void clearSilhouettes();
  void transitionPoints(const acis_Coedge* coedge, const c_Surface* other);
  void sampleIntcurve(const acis_Coedge* coedge, SilhouetteRecord& record);
  void insertOverlap(SilhouetteRecord& record, const c_Point& a, const c_Point& b,
                     const acis_Coedge* coedge);
  void drawSilhouettePieces(const acis_Face* face);
  bool entering(const acis_Face* face, const SilhouetteRecord& record,
                const PartitionNode& node) const;

  const acis_Body* body_;  // not owned
  RenderParams params_;
  int32_t linkBound_;
  const RenderOutput* output_ = nullptr;  // the caller's; not owned
  RenderOutput relay_{};                  // hands the renderer's points on through the transform
  std::vector<SilhouetteRecord> silhouettes_;
  int32_t capacity_ = 0;

  c_Vector view_;
  c_Mat4 transform_;
  bool transformed_ = false;
  bool boxStarted_ = false;
  double min_[3] = {0, 0, 0}, max_[3] = {0, 0, 0};
  const c_FramedQuadric* cone_ = nullptr;
  bool transition_ = false;
};

#endif
