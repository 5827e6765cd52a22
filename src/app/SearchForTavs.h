#pragma once

namespace vantrel {

class Bootstrap;

// Fills the four result rows from COM1..COM4, probing each port that opens (or, in
// emergency mode, listing it).
void SearchForTavs(Bootstrap& w);

}  // namespace vantrel
