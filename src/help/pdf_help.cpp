// Help: hands the manual to the shell, which shows it with the PDF viewer of
// the user's choice.
#include "../app/launcher_state.h"

bool openPdfHelp()
{
    // A relative name: after a Start, the working directory of that Start.
    return shellOpen("Tabrivet.pdf", "");
}
