#pragma once

#include <string>

namespace tamberlin::results {

struct ServeOptions {
    std::string folder;
    std::string bind;   // empty: every interface
    int port = 8080;    // 0: any free port
    std::string dbPath; // empty: FOLDER/results.sqlite
    int threads = 16;
};

// Serves the folder's pages, receives submissions at /results and shows the teacher's report
// at /teacher?key=...; runs until SIGINT or SIGTERM. Returns the exit status.
int Serve(const ServeOptions& options);

} // namespace tamberlin::results
