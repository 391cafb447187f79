#include "reports/template_resource.h"

#include "reports/program_resource.h"

namespace hvm {

tMHTML LoadTemplate(int number, HMODULE module) {
  return tMHTML(ReadProgramResource(number, module));
}

}  // namespace hvm
