// Drawing external references: the queue of referenced drawings that a pass meets and the walk
// that draws the host's list and then every queued reference through the host's viewports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/display/regen.h"

struct TkXrefRequest {
  std::string path;  // as located
  double transform[16];
  int16_t colour;
  int16_t lineweight;
  int16_t xref_depth;
  uint64_t mask;
  std::vector<std::string> chain;  // the drawings on the way from the host, this one last
  // The spatial filters in force where the reference was met (top of the stack first), and the
  // outermost reference insertion it is seen through, whose own filter the referenced drawing
  // builds against its base point.
  std::vector<TkFilterNode> filters;
  TkDrawing* outer_drawing;
  TkHandle outer_handle;
  // The reference block's name, and the layer of the insertion that the referenced drawing's
  // first layer takes: colour, lineweight, plot style and linetype (held by linetype_drawing).
  std::string block_name;
  int16_t layer_colour;
  int16_t layer_lineweight;
  TkHandle layer_plot_style;
  TkHandle layer_linetype;
  TkDrawing* linetype_drawing;
};

// Queues the reference of an insertion of an external-reference block whose BLOCK names
// block_path: the extension is added, the application may locate it (slot 9); a file that does
// not exist sets error 20 and goes to slot 7; a path already on the chain is not queued.
void regen_queue_xref(TkDrawing* drawing, const char* block_path, const char* block_name,
                      const TkLayerRecord& layer, const double transform[16], int16_t colour,
                      int16_t lineweight, int16_t xref_depth, uint64_t mask,
                      const std::vector<std::string>& chain);
// The drawing that holds the linetype of a layer of the drawing being drawn: the host for a
// reference drawing's layer that took a host linetype, else the drawing itself.
TkDrawing* regen_layer_linetype_drawing(TkDrawing* drawing, const TkHandle& layer);
// Before a reference drawing is drawn, when the host keeps reference layer settings (VISRETAIN):
// each host layer named "<reference name>|<layer>" lends its colour, frozen flag, lineweight,
// plot style and (when it is the host's own) linetype to the reference's layer of that name.
int16_t regen_sync_xref_layers(TkDrawing* drawing);
// Draws the list of the host and then every reference the pass queued. 1 when drawn.
int16_t tk_draw_xrefs(TkDrawing* host, TkList* list);
