#pragma once

#include <string>

namespace tamberlin::results {

struct ServeOptions {
    std::string folder;
    std::string bind;   // empty: every interface
    int port = 8080;    // 0: any free port
    std::string dbPath; // empty: FOLDER/results.sqlite
    int threads = 16;
    std::string rosterPath; // empty: no class list, any name is taken at /login
    int connectionLimit = 1000;
    int perAddressLimit = 200; // connections one address may hold
};

// Serves the folder's pages, receives submissions at /results, lets takers log in at /login
// and shows the teacher's report at /teacher?key=...; runs until SIGINT or SIGTERM. Returns
// the exit status.
int Serve(const ServeOptions& options);

} // namespace tamberlin::results
