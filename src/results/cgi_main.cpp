// tamberlin-results.cgi: the results receiver as a CGI program. A web server starts it for
// every submission, so it links only what storing one needs.
#include "results/cgi.h"

#include <cstdio>
#include <cstdlib>

int main() {
    if (const char* gateway = std::getenv("GATEWAY_INTERFACE"); gateway == nullptr || !*gateway) {
        std::fputs("tamberlin-results.cgi is started by a web server as a CGI program (see the "
                   "manual's \"Collecting the results\"); tamberlin-results serves and "
                   "reports.\n",
                   stderr);
        return 2;
    }
    return tamberlin::results::RunCgi();
}
