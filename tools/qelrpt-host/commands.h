// The commands that list what a library offers and evaluate one formula.
#ifndef QELRPT_HOST_COMMANDS_H
#define QELRPT_HOST_COMMANDS_H

#include <string>

#include "common/output.h"
#include "plugin.h"

namespace qhost {

// The library's version and each function's definition, template and
// example text.
void List(const Plugin &plugin, qtool::Output &output);

// Checks one formula call against its function's definition, calls it and
// writes its result.  Throws HostError, before any call when the formula
// does not fit.
void Eval(const Plugin &plugin, const std::string &formula, bool showBlanks, qtool::Output &output);

}  // namespace qhost

#endif
