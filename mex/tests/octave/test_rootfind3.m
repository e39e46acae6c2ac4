## Octave checks of rootfind3.mex, called as a user calls it.
function test_rootfind3 ()
  check_error ("rootfind3 ([0 0 0 0]);", "All coefficients of the cubic spline are zero!");
  check_error ("rootfind3 ([0 0 0 0], 0);", "All coefficients of the cubic spline are zero!");

  [t, d1, d2] = rootfind3 ([0 0 0 5]);
  assert (size (t), [1 0]);
  assert (size (d1), [1 0]);
  assert (size (d2), [1 0]);

  [t, d1, d2] = rootfind3 ([0 0 1 -0.5]);
  assert ([t d1 d2], [0.5 1 0]);

  ## (t - 0.2)(t - 0.5)(t - 0.9): p'' = 6t - 3.2.
  [t, d1, d2] = rootfind3 ([1 -1.6 0.73 -0.09]);
  assert (t, [0.2 0.5 0.9], 1e-12);
  assert (d1, [0.21 -0.12 0.28], 1e-12);
  assert (d2, [-2 -0.2 2.2], 1e-12);
  assert (rootfind3 (reshape ([1 -1.6 0.73 -0.09], 2, 2)), [0.2 0.5 0.9], 1e-12);
  t = rootfind3 ([1 -1.6 0.73 -0.09]);   # one output is enough
  assert (numel (t), 3);

  assert (rootfind3 (poly ([-0.5 0.5 1.5])), 0.5, 1e-12);     # outside roots dropped
  assert (rootfind3 ([0 1 -1 0]), [0 1]);                      # roots at both ends kept
  assert (rootfind3 ([1 -1.25 0.5 -0.0625]), 0.25, 1e-12);     # double root 0.5: one-root formula
  ## Ends of the same sign with two roots inside.
  assert (rootfind3 (2.5 * poly ([0.913962 0.457205 -0.415809])), [0.457205 0.913962], 1e-12);

  ## LoopFields = 0: the monotone fast path.
  assert (isempty (rootfind3 ([1 -2.5 -1 5], 0)));
  assert (rootfind3 (poly ([0.3 2 3]), 0), 0.3, 1e-10);
  assert (rootfind3 (poly ([0.3 2 3]), NaN), rootfind3 (poly ([0.3 2 3])));
  assert (rootfind3 (poly ([0.3 2 3]), true), rootfind3 (poly ([0.3 2 3])));

  ## Cubics from chosen roots: each root keeps its own derivatives.
  rand ("state", 42);
  for trial = 1:200
    r = sort (rand (1, 3) * 2 - 0.5);
    if (min (diff (r)) < 0.05 || any (abs (r) < 1e-6 | abs (r - 1) < 1e-6))
      continue;
    endif
    a = (2 * mod (trial, 2) - 1) * (0.2 + 5 * rand ());
    c = a * poly (r);
    [t, d1, d2] = rootfind3 (c);
    inside = r(r >= 0 & r <= 1);
    assert (t, inside, 1e-9);
    assert (d1, polyval (polyder (c), inside), 1e-8);
    assert (d2, polyval (polyder (polyder (c)), inside), 1e-8);
  endfor

  check_error ("[a, b, c, d] = rootfind3 ([0 0 1 0]);", "Wrong number of output parameters!");
  check_error ("rootfind3 ();", "Wrong number of input parameters!");
  check_error ("rootfind3 ([0 0 1 0], 1, 1);", "Wrong number of input parameters!");
  check_error ("rootfind3 ([1 0 0 1 0]);", "Coefficient vector must contain 4 real elements!");
  check_error ("rootfind3 ([1 0 0 1i]);", "Coefficient vector must contain 4 real elements!");
  check_error ("rootfind3 ([0 0 1 0], [1 0]);", "LoopFields must be a scalar (boolean)!");
  check_error ("rootfind3 (single ([0 0 1 -0.5]));", "Coefficient vector must be a full double array!");
  printf ("rootfind3: all checks passed\n");
endfunction
