#include "app/WindowHandlers.h"

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "app/ProgramTavClick.h"

namespace vantrel {

WindowHandlers WindowHandlers::Program() {
    WindowHandlers h;
    h.Load = Load_Click;
    h.search = search_Click;
    h.Emergency = Emergency_Click;
    h.ProgramTav = ProgramTav_Click;
    h.Exit = Exit_Click;
    h.Option1 = Option1_Click;
    return h;
}

}  // namespace vantrel
