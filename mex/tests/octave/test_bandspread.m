## Octave checks of bandspread.mex, called as a user calls it.
function test_bandspread ()
  X = 0:9;
  s = bandspread ([2 4], 1, 1, X);
  assert (isreal (s));
  assert (s, [0 0 0.5 0.5 0 0 0 0 0 0]);
  c = bandspread ([2 4], 1 + 2i, 1, X);
  assert (iscomplex (c));
  assert (real (c), s);
  assert (imag (c), 2 * s);

  assert (bandspread ([1.1 1.1], 3, 0.5, (0:7) * 0.25), [0 0 0 0 6 0 0 0]);   # v = 3 * 0.5 / 0.25
  assert (bandspread ([6.8 2.3], 1.5, 2, X), bandspread ([2.3 6.8], 1.5, 2, X));
  assert (all (bandspread ([-5 -1.5], 1, 1, X) == 0));
  assert (all (bandspread ([10 14], 1, 1, X) == 0));
  assert (all (bandspread ([1 NaN 3], 1, [1 1], X) == 0));

  ## Conservation: a chain inside the axis adds sum(mean(Amp) .* Wt) / dx.
  rand ("state", 5);
  np = 5000;
  P = 1 + 119 * rand (1, np);
  A = (3 * rand (1, np) - 1) + 1i * (3 * rand (1, np) - 1);
  W = rand (1, np - 1);
  dx = 0.5;
  s = bandspread (P, A, W, (0:255) * dx);
  v = (A(1:end-1) + A(2:end)) / 2 .* W;
  assert (real (sum (s)) * dx, real (sum (v)), 1e-12 * sum (abs (v)));
  assert (imag (sum (s)) * dx, imag (sum (v)), 1e-12 * sum (abs (v)));
  for k = 1:20
    t = bandspread (P(k:k+1), A(k:k+1), W(k), (0:255) * dx);
    assert (sum (t) * dx, v(k), 1e-12 * abs (v(k)));
  endfor

  check_error ("s = bandspread ([2 4 6], 1, [1 1]);", "Wrong number of input parameters!");
  check_error ("bandspread ([2 4 6], 1, [1 1], X);", "Wrong number of output parameters!");
  check_error ("s = bandspread ([2 4 6], 1, [1 1 1], X);", "Wrong number of segment weights. Should be nPeaks-1");
  check_error ("s = bandspread ([2 4 6], [1 1], [1 1], X);", "Wrong number of amplitudes! Should be 1 or nPeaks.");
  check_error ("s = bandspread ([2 4+1i], 1, 1, X);", "Peak positions are complex! Only real are allowed.");
  check_error ("s = bandspread ([2 4], 1, 1i, X);", "Segment weights are complex! Only real are allowed.");
  check_error ("s = bandspread ([2 4], 1, 1, 0);", "Axis X must have at least 2 elements!");
  printf ("bandspread: all checks passed\n");
endfunction
