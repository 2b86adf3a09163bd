// The game clock as one increasing number of hours; every month counts 31 days.
#pragma once

double GameHours();
