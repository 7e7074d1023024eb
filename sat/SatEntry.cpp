// The SAT entry: stream over the caller's read callback, parse, outcome line, body display.
#include "sat/SatEntry.h"

#include <iostream>
#include <memory>
#include <new>

#include "sat/AcisTopology.h"
#include "sat/GL_Renderer.h"
#include "sat/SatParser.h"

namespace {

const char kLabel[] = "It should never happen";

}  // namespace

SatCallbackStreambuf::int_type SatCallbackStreambuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (!output_ || !output_->read) return traits_type::eof();
  int32_t n = output_->read(buffer_, int32_t(sizeof buffer_), output_->ctx);
  // A callback that claims more than it was offered is held to the buffer.
  if (n <= 0) return traits_type::eof();
  if (n > int32_t(sizeof buffer_)) n = int32_t(sizeof buffer_);
  setg(buffer_, buffer_, buffer_ + n);
  return traits_type::to_int_type(buffer_[0]);
}

void sat_body_display(satParser* parser, RenderOutput* output) {
  std::cout << "Creating graphical representation." << std::endl;
  auto params = std::make_unique<RenderParams>();
  params->extraSilhouetteCount = output->extraSilhouetteCount;
  params->reserved = -1;
  params->view = c_Vector(1, 1, 1);
  params->view.normalize();
  params->up = c_Vector(0, 1, 0);
  params->qualityLevel =
      output->qualityLevel < 1 || output->qualityLevel > 10 ? 5 : output->qualityLevel;
  int32_t index = 0;
  for (acis_Body* body = parser->firstBody(); body; body = parser->nextBody(), ++index) {
    GL_Renderer renderer(body, *params, parser->recordsMade() + 1);
    renderer.setOutput(output);
    renderer.render(index);
  }
}

int32_t sat_parse_entity(RenderOutput* output) {
  if (!output) return 0;
  SatCallbackStreambuf buffer(output);
  // A malformed text must cost the drawing this one entity, whatever the reading runs out of.
  try {
    std::unique_ptr<satParser> parser(new (std::nothrow) satParser(&buffer));
    if (!parser) {
      std::cout << kLabel << " not found.\n";
      return 0;
    }
    int32_t result = parser->parse();
    switch (result) {
      case kSatUnreadable:
        std::cout << kLabel << " not found.\n";
        break;
      case kSatUnsupported:
        std::cout << "Could not process unsupported SAT file version: " << parser->version()
                  << std::endl;
        break;
      case kSatPrematureEnd:
        std::cout << "Premature End of File encountered on: " << kLabel << std::endl;
        break;
      case kSatNoBody:
        std::cout << "No BODY found on SAT file: " << kLabel << std::endl;
        break;
      default:
        std::cout << "\nSuccessfully parsed: " << kLabel << " (SAT file version "
                  << parser->version() << ")\n";
        sat_body_display(parser.get(), output);
        break;
    }
  } catch (const std::bad_alloc&) {
    std::cout << kLabel << " not found.\n";
  }
  return 0;
}
