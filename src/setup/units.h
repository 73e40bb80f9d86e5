#pragma once
#include <QString>

// Temperature units: conversions between Celsius and Fahrenheit and decimal rounding. Numbers
// are read and written in one fixed notation (a point for decimals, no grouping), whatever the
// desktop's regional settings.

// x rounded to n decimal places (n in -50..50, halves away from zero); 0 for any other n.
double RoundingDP(double x, long n);
// The converted temperature as text with two decimals: c x 9 / 5 + 32, and (f - 32) x 5 / 9.
QString CtoFText(float c);
QString FtoCText(float f);
// Converts the main window's highest and lowest temperature labels: mode 1 to Fahrenheit, any
// other mode to Celsius. Labels that hold no value yet are left as they are.
void UpdateMainHighLowLabels(int mode);
