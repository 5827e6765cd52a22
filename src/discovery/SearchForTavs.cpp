// PLACEHOLDER: replaced by the search.
#include "discovery/SearchForTavs.h"
namespace vantrel {
void SearchForTavs(Bootstrap&) {}
}  // namespace vantrel
