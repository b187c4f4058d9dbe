// Tests of the parent's flow relaunch their own test program; started with
// "--IsElevated=", it plays the elevated child instead of running tests:
//   BRASK_TEST_CHILD_LOG     file that receives the child's command line
//   BRASK_TEST_CHILD_BATCH   8-bit file of lines sent through the command file
//   BRASK_TEST_CHILD_DIRECT  "1": the lines are written straight to the file,
//                            without waiting for the parent to take them
//   BRASK_TEST_CHILD_SLEEP   milliseconds to stay alive afterwards
//   BRASK_TEST_CHILD_EXIT    the exit code
#pragma once

bool IsRelaunchedChild();
int RunAsChild();
