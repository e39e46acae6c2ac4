## Octave checks of facetspread.mex, called as a user calls it.
function test_facetspread ()
  T = uint32 ([1; 2; 3]);
  X = 0:9;
  s = facetspread (T, 1, [2 4 6], 1, X);
  assert (size (s), [1 10]);
  assert (s, [0 0 0.125 0.375 0.375 0.125 0 0 0 0], 1e-15);
  assert (facetspread (uint32 ([3; 1; 2]), 1, [2 4 6], 1, X), s, 1e-15);

  ## One bin: the whole weight over the step lands there (dx = 0.5).
  s = facetspread (T, 2, [11.6 11.9 11.75], 1.5, 10 + 0.5 * (0:7));
  assert (s, [0 0 0 6 0 0 0 0], 1e-13);

  ## One amplitude for all, or the mean of the three corners.
  T2 = uint32 ([1 2; 2 3; 3 4]);
  P2 = [1.2 1.4 1.6 1.8];
  assert (facetspread (T2, [1 3], P2, 2, 0:3), [0 8 0 0], 1e-13);
  assert (facetspread (T2, [1 3], P2, [1 2 3 7], 0:3), [0 2+12 0 0], 1e-13);

  assert (all (facetspread (T, 1, [2 NaN 6], 1, X) == 0));
  assert (all (facetspread (T, 1, [3 3 3], 1, X) == 0));
  assert (sum (facetspread (T, 1, [-0.5 1 3], 1, X)), 1, 1e-14);   # u in (-1, 0) counts in bin 0

  ## Conservation: triangles wholly inside the axis add S * mean(Amp) / dx.
  rand ("state", 7);
  nt = 5000;
  Tr = uint32 (reshape (1:3*nt, 3, nt));
  P = 3 + 55 * rand (1, 3*nt);
  A = 0.1 + rand (1, 3*nt);
  S = 0.1 + rand (1, nt);
  dx = 0.25;
  s = facetspread (Tr, S, P, A, (0:255) * dx);
  w = S .* mean (A(Tr), 1);
  assert (sum (s) * dx, sum (w), 1e-12 * sum (w));
  for k = 1:20   # and one by one
    t = facetspread (Tr(:, k), S(k), P, A, (0:255) * dx);
    assert (sum (t) * dx, w(k), 1e-12 * w(k));
  endfor

  P3 = [2 4 6];
  check_error ("facetspread (T, 1, P3, 1);", "Wrong number of input arguments!");
  check_error ("facetspread (T, 1, P3, 1, X);", "Wrong number of output arguments!");
  check_error ("[a, b] = facetspread (T, 1, P3, 1, X);", "Wrong number of output arguments!");
  check_error ("s = facetspread (uint32 ([1 2; 2 3]), [1 1], P3, 1, X);", "Triangulation array must have 3 rows!");
  check_error ("s = facetspread ([1; 2; 3], 1, P3, 1, X);", "Triangulation array must be uint32!");
  check_error ("s = facetspread (T, [1 1], P3, 1, X);", "Number of triangles and areas must match!");
  check_error ("s = facetspread (T, 1, P3, [1 1], X);", "Number of line positions and amplitudes must match!");
  check_error ("s = facetspread (uint32 ([1; 4; 2]), 1, P3, 1, X);",
               "Triangulation array: corner index 4 of triangle 1 is outside 1..3 (the elements of P)!");
  check_error ("s = facetspread (T, 1, P3, 1, 0);", "Axis X must have at least 2 elements!");
  check_error ("s = facetspread (T, 1, P3, 1, [1 1 1]);",
               "Axis X must be ascending with a finite step X(2) - X(1) > 0!");
  printf ("facetspread: all checks passed\n");
endfunction
