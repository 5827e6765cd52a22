#pragma once

namespace vantrel {

class Bootstrap;

// The Program button: sends the loaded image to the tav of the selected row.
void ProgramTav_Click(Bootstrap& w);

}  // namespace vantrel
