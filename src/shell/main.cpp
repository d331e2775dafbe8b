// The demo program: the entry routine on the SDL desktop backend.
#include "shell/demo.h"

int main()
{
    return demo_main();
}
