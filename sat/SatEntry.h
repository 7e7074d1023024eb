// The entry through which the drawing toolkit hands the SAT text of a solid, region or body to
// the SAT reader: the text streams in through the caller's read callback, is parsed, and every
// body is drawn back through the caller's begin/vertex/end callbacks. Nothing outlives the call.
#ifndef SAT_SATENTRY_H
#define SAT_SATENTRY_H

#include <cstdint>
#include <streambuf>

#include "sat/RenderOutput.h"

class satParser;

// A read-only stream buffer over the read callback of a RenderOutput, refilled 512 bytes at a
// time.
class SatCallbackStreambuf : public std::streambuf {
 public:
  explicit SatCallbackStreambuf(const RenderOutput* output) : output_(output) {}

 protected:
  int_type underflow() override;
  int_type overflow(int_type) override { return traits_type::eof(); }
  pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
    return pos_type(off_type(-1));
  }
  int_type pbackfail(int_type c) override { return c; }

 private:
  const RenderOutput* output_;  // the caller's; not owned
  char buffer_[512];
};

// Parses the SAT text and draws its bodies; always 0 (the outcome goes to the standard output).
int32_t sat_parse_entity(RenderOutput* output);
// Draws every body of a parsed text, the one written last first.
void sat_body_display(satParser* parser, RenderOutput* output);

#endif
