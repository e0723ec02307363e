/* A minimal host: sends each command-line argument as a request and prints
 * the response. Shows the ownership rule: every response goes back to
 * kovi_engine_free exactly once. */
#include <stdio.h>

#include <kovi/engine.h>

int main(int argc, char** argv) {
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    char* response = kovi_engine_eval(argv[i]);
    puts(response);
    if (response[6] != 't') failed = 1; /* {"ok":true... */
    kovi_engine_free(response);
  }
  return failed;
}
