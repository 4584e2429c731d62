// The commands that list what a library offers and evaluate one formula.
#ifndef QELRPT_HOST_COMMANDS_H
#define QELRPT_HOST_COMMANDS_H

#include <string>

#include "common/messages.h"
#include "common/output.h"
#include "plugin.h"

namespace qhost {

// The library's version and each function's definition, template and
// example text.
void List(const Plugin &plugin, qtool::Output &output);

// Checks one formula call against its function's definition, calls it and
// writes its result; a String result at the library's bound gets a message
// that it may be cut short.  Throws HostError, before any call when the
// formula does not fit.
void Eval(const Plugin &plugin, const std::string &formula, bool showBlanks, qtool::Output &output,
          qtool::Messages &messages);

}  // namespace qhost

#endif
