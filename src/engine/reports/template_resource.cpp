#include "engine/reports/template_resource.h"

#include "engine/reports/program_resource.h"

namespace hvm {

MhtmlDocument LoadTemplate(int number, HMODULE module) {
  return MhtmlDocument(ReadProgramResource(number, module));
}

}  // namespace hvm
