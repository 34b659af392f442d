on placecursor(docName, newPos)
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			if name of active document is not docName then return -1
			set selection start of selection to newPos
			set selection end of selection to newPos
			return selection start of selection
		end tell
	end timeout
end placecursor

-- A tell block starts Word when it is not running; a read after Word quit must fail instead.
on requireword()
	if application id "com.microsoft.Word" is not running then error "Microsoft Word isn’t running." number -600
end requireword
