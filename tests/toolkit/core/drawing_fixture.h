// A bare drawing record for tests of the record structures: empty table lists and an empty
// handle index, freed again at the end. Building a complete drawing is not its job.
#pragma once

#include <memory>

#include "toolkit/core/drawing.h"

namespace records_test {

struct BareDrawing {
  BareDrawing() : d(new TkDrawing()) { hidx_reset(&d->index); }
  ~BareDrawing() {
    for (TkList* l : {&d->layers, &d->linetypes, &d->ucss, &d->views, &d->vports, &d->dimstyles,
                      &d->appids, &d->blocks, &d->styles, &d->classes, &d->objects})
      list_free_links(l);
    hidx_free_all(&d->index);
  }
  TkDrawing* operator->() { return d.get(); }
  TkDrawing* get() { return d.get(); }
  std::unique_ptr<TkDrawing> d;
};

}  // namespace records_test
