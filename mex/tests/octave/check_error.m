## check_error (CODE, EXPECTED)
## Evaluates CODE in the caller and fails unless it raises the error
## EXPECTED. Octave puts the function's name and ": " before the text a MEX
## function raises; MATLAB gives the text alone. Both forms are accepted.
function check_error (code, expected)
  try
    evalin ("caller", code);
  catch err
    msg = err.message;
    n = numel (expected);
    plain = strcmp (msg, expected);
    named = numel (msg) > n + 2 && strcmp (msg(end-n-1:end), [": " expected]);
    if (! (plain || named))
      error ("check_error: %s\n  raised:   %s\n  expected: %s", code, msg, expected);
    endif
    return;
  end_try_catch
  error ("check_error: %s raised no error (expected: %s)", code, expected);
endfunction
