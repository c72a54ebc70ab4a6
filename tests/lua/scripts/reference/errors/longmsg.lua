-- The message is cut to 200 characters in the listing.
error(strrep("m", 300))
