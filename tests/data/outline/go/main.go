package main

type Server struct {
	Name string
}

type Handler interface {
	Serve()
}

func (s *Server) Serve() {}

const Port = 80

func main() {}
