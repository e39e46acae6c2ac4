## Octave checks of peakaccum.mex, called as a user calls it.
function test_peakaccum ()
  G = [0 0.25 0.75 1];
  X = 0:9;
  s = peakaccum (G, 2.5, 1, 5, 1, 1, X);
  assert (s, [0 0 0 0 0.25 0.5 0.25 0 0 0], 1e-15);
  assert (sum (s) * 1, 1 * (G(4) - G(1)), 1e-15);
  assert (peakaccum (G, 2.5, 1, [5 5], [1 1], [1 1], X), 2 * s, 1e-15);

  ## Zero width: drawn with width dx/100, the whole area in the line's point.
  assert (peakaccum (G, 2.5, 1, 5.3, 2, 0, X), [0 0 0 0 0 2 0 0 0 0], 1e-12);

  ## Tables that miss the axis.
  assert (all (peakaccum (G, 2.5, 1, 11, 1, 1, X) == 0));   # o = Nx - 1
  assert (all (peakaccum (G, 2.5, 1, -1, 1, 1, X) == 0));   # e = 0

  ## Messages: printed once each, Inf before negative width; results stay.
  inf_msg = "********** peakaccum: Inf encountered!! Please report! **************\n";
  neg_msg = "********** peakaccum: Negative width encountered!! Please report! **************\n";
  out = evalc ("r = peakaccum (G, 2.5, 1, [3 5 2 Inf], [1 1 Inf 1], [-1 1 1 1], X);");
  assert (out, [inf_msg neg_msg]);
  assert (r, peakaccum (G, 2.5, 1, [3 5], [1 1], [0 1], X), 1e-15);
  assert (evalc ("r = peakaccum (G, 2.5, 1, [5 6], [Inf Inf], [1 1], X);"), inf_msg);
  assert (all (r == 0));
  assert (evalc ("r = peakaccum (G, 2.5, 1, [NaN 5], [1 NaN], [1 1], X);"), "");
  assert (all (r == 0));

  ## Conservation: lines whose table lies inside the axis keep their area.
  x = linspace (0, 1, 181);
  Gb = [zeros(1, 10) (x - sin (2*pi*x) / (2*pi)) ones(1, 10)];
  rand ("state", 3);
  nl = 2000;
  pos = 30 + 190 * rand (1, nl);
  amp = 3 * rand (1, nl) - 1;
  wid = 0.1 + 4 * rand (1, nl);
  dx = 0.5;
  s = peakaccum (Gb, 101, 20, pos, amp, wid, (0:511) * dx);
  assert (sum (s) * dx, sum (amp), 1e-12 * sum (abs (amp)));
  for k = 1:20
    t = peakaccum (Gb, 101, 20, pos(k), amp(k), wid(k), (0:511) * dx);
    assert (sum (t) * dx, amp(k), 1e-12 * abs (amp(k)));
  endfor

  check_error ("s = peakaccum (G, 2.5, 1, 5, 1, 1);", "Wrong number of input parameters!");
  check_error ("peakaccum (G, 2.5, 1, 5, 1, 1, X);", "Wrong number of output parameters!");
  check_error ("s = peakaccum (G, 2.5, 1, [5 6], 1, 1, X);", "Pos, Amp, Wid must have the same number of elements!");
  check_error ("s = peakaccum (G, 2.5, 0, 5, 1, 1, X);", "Table density rho must be a positive finite number!");
  check_error ("s = peakaccum (G, 2.5, Inf, 5, 1, 1, X);", "Table density rho must be a positive finite number!");
  check_error ("s = peakaccum (1, 2.5, 1, 5, 1, 1, X);", "Line shape table G must have at least 2 elements!");
  check_error ("s = peakaccum (G, 2.5, 1, 5, 1, 1, [2 2]);",
               "Axis X must be ascending with a finite step X(2) - X(1) > 0!");
  printf ("peakaccum: all checks passed\n");
endfunction
