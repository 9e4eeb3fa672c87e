cvsin_type_2  
Start(mV):     -0.200000E+03
End(mV):       -0.200000E+03
Max(mV):        0.600000E+03
Min(mV):       -0.200000E+03
Freq1(Hz):      0.312500E+01
Amp1(mV):       0.100000E+02
Phase1(deg):    0.000000E+00
Freq2(Hz):      0.000000E+00
Amp2(mV):       0.000000E+00
Phase2(deg):    0.000000E+00
Freq3(Hz):      0.000000E+00
Amp3(mV):       0.000000E+00
Phase3(deg):    0.000000E+00
Freq4(Hz):      0.000000E+00
Amp4(mV):       0.000000E+00
Phase4(deg):    0.000000E+00
Freq5(Hz):      0.000000E+00
Amp5(mV):       0.000000E+00
Phase5(deg):    0.000000E+00
Freq6(Hz):      0.000000E+00
Amp6(mV):       0.000000E+00
Phase6(deg):    0.000000E+00
Freq7(Hz):      0.000000E+00
Amp7(mV):       0.000000E+00
Phase7(deg):    0.000000E+00
Freq8(Hz):      0.000000E+00
Amp8(mV):       0.000000E+00
Phase8(deg):    0.000000E+00
Type(0-4):      4 
Rate(mV/s):     0.100000E+03
Direction:      c 
Scans:  1
Average:        19
Gain(0-4):      1 
Initial(mV):   -0.200000E+03
Initial(mS):    0.100000E+05
Pre(mV):        0.000000E+00
Pre(ms):        0.000000E+00
Post(mV):       0.000000E+00
Post(ms):       0.000000E+00
-0.200000E+00  -0.150000E-05   0.000000E+00
 0.600000E+00   0.250000E-06   0.533333E+01
-0.200000E+00   0.000000E+00   0.106667E+02
