// The search in real time through the Qt serial adapter, over a pseudo-terminal, with the
// tav simulator at the far end answering at 19200 baud only.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <string>

#include "TavsimProcess.h"
#include "app/Bootstrap.h"
#include "app/SearchForTavs.h"
#include "posix/QtEventPump.h"
#include "posix/QtSerialPort.h"
#include "registry/RegFileStore.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedDialogs.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "e2e_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

TEST(SearchOverPty, FindsA19200BaudTavOnCom1AndShowsItsNameAndVersion) {
    App();
    TavsimProcess tav(VANTREL_TAVSIM, {"--baud", "19200", "--reply", "44", "--version", "3.9"});
    // COM1 is the simulator; COM2..COM4 have no device, whatever ports this machine has.
    const ScopedEnv com1("VANTREL_COM1", tav.SlavePath().c_str()), com2("VANTREL_COM2", "none"),
        com3("VANTREL_COM3", "none"), com4("VANTREL_COM4", "none");

    TempDir dir;
    RegFileStore registry(CopyOfDefaultRegistry(dir.Path()));
    QtSerialPort port;
    QtEventPump pump;
    ScriptedDialogs dialogs;
    Bootstrap w(port, pump, dialogs, registry);
    Form_Load(w);
    w.TargetReply = 0x44;

    SearchForTavs(w);

    EXPECT_TRUE(w.TavType[0].Visible);
    EXPECT_EQ(w.TavType[0].Caption, "Tav model 03 3.9");
    EXPECT_TRUE(w.Option1[0].Visible);
    EXPECT_TRUE(w.Option1[0].Enabled);
    EXPECT_FLOAT_EQ(w.TavVersion[0], 3.9f);
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(w.TavType[i].Visible) << "row " << i;
        EXPECT_FALSE(w.Option1[i].Visible) << "row " << i;
    }
    EXPECT_FALSE(w.MSComm1.PortOpen());
    EXPECT_FALSE(w.ProgramTav.Enabled);
}

}  // namespace
}  // namespace vantrel::test
