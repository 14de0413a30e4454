// SPDX-License-Identifier: Apache-2.0
// Built only by the test build.warnings_are_errors, which expects it not to compile: the unused
// variable is a warning, and the builds the tests run in make warnings errors.
int main() {
  int unused = 0;
  return 0;
}
