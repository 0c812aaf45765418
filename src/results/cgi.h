#pragma once

namespace tamberlin::results {

// Answers one CGI/1.1 request: the request from the environment and standard input, the
// reply on standard output, problems on standard error (the web server's error log).
// Configured by TAMBERLIN_RESULTS_DB and TAMBERLIN_QUIZ_DIR. Returns the exit status.
int RunCgi();

} // namespace tamberlin::results
