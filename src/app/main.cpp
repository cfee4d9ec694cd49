#include "app/application.h"
#include "app/systemservices.h"
#include "platform/clock.h"
#include "platform/services.h"

int main(int argc, char** argv)
{
    KovraApplication app(argc, argv);
    const ProgramOptions options = parseCommandLine(app);
    WidgetPrompts prompts;
    SystemClock clock;
    SystemDesktop desktop;
    SystemRandom random;
    return runKovra(app, Services{prompts, clock, desktop, random}, options);
}
