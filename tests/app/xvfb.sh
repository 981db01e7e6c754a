#!/bin/sh
# Runs a command on its own virtual X server. xvfb-run's automatic server
# number starts its search at 99 for everyone, so window tests started at the
# same moment (ctest -j, several builds on one machine) could pick the same
# number; starting the search at a number drawn from the process id keeps
# them apart.
exec xvfb-run -a -n $(( $$ % 800 + 100 )) -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
